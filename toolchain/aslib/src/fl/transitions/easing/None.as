package fl.transitions.easing
{
	/**
	 * Easing functions f(t, b, c, d): the value at time t of a property
	 * that moves from b to b + c over the duration d. None moves at one
	 * steady speed; all four functions are the same.
	 */
	public class None
	{
		public static function easeNone(t:Number, b:Number, c:Number, d:Number):Number
		{
			return c * t / d + b;
		}

		public static function easeIn(t:Number, b:Number, c:Number, d:Number):Number
		{
			return c * t / d + b;
		}

		public static function easeOut(t:Number, b:Number, c:Number, d:Number):Number
		{
			return c * t / d + b;
		}

		public static function easeInOut(t:Number, b:Number, c:Number, d:Number):Number
		{
			return c * t / d + b;
		}
	}
}
