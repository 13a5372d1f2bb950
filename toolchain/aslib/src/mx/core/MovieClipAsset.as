package mx.core
{
	import flash.display.MovieClip;

	/**
	 * Base of classes for embedded symbols with a timeline of their own:
	 * an instance plays its frames like any MovieClip.
	 */
	public class MovieClipAsset extends MovieClip implements IFlexAsset
	{
		private var m_measuredWidth:Number;
		private var m_measuredHeight:Number;

		public function MovieClipAsset()
		{
			super();
			m_measuredWidth = width;
			m_measuredHeight = height;
		}

		public function get measuredWidth():Number
		{
			return m_measuredWidth;
		}

		public function get measuredHeight():Number
		{
			return m_measuredHeight;
		}

		public function move(x:Number, y:Number):void
		{
			this.x = x;
			this.y = y;
		}

		public function setActualSize(newWidth:Number, newHeight:Number):void
		{
			width = newWidth;
			height = newHeight;
		}
	}
}
